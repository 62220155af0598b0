-- qsort: quicksort of n pseudo-random numbers from the Lehmer generator
-- x' = 16807 x mod 2147483647 with x0 = 42, the first element the pivot.
-- The result is the weighted sum 1*y1 + 2*y2 + ... + n*yn of the sorted
-- list.  As ZK's EXPR, extending or joining lists copies them.
-- lua5.4 qsort.lua 3000

local function nxt(x)
  return (x * 16807) % 2147483647
end

-- The generator's first k values after x, the earliest last.
local function gen(k, x)
  if k == 0 then
    return {}
  end
  x = nxt(x)
  local l = gen(k - 1, x)
  l[#l + 1] = x
  return l
end

local function snoc(l, x)
  local c = table.move(l, 1, #l, 1, {})
  c[#c + 1] = x
  return c
end

local function join(a, p, b)
  local c = table.move(a, 1, #a, 1, {})
  c[#c + 1] = p
  return table.move(b, 1, #b, #c + 1, c)
end

local qs

-- Splits l[i..] into the elements below the pivot p and the others, then
-- sorts both and joins them around p.
local function part(p, l, i, lo, hi)
  if i > #l then
    return join(qs(lo), p, qs(hi))
  end
  if p > l[i] then
    return part(p, l, i + 1, snoc(lo, l[i]), hi)
  end
  return part(p, l, i + 1, lo, snoc(hi, l[i]))
end

qs = function(l)
  if #l == 0 then
    return l
  end
  return part(l[1], l, 2, {}, {})
end

local function wsum(l, i, s)
  if i > #l then
    return s
  end
  return wsum(l, i + 1, s + i * l[i])
end

print(wsum(qs(gen(math.tointeger(arg[1]), 42)), 1, 0))
