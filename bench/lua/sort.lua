-- sort: merge sort of N pseudo-random numbers from the Lehmer generator
-- x' = 16807 x mod 2147483647 with x0 = 42.  The result is the weighted sum
-- 1*y1 + 2*y2 + ... + N*yN of the sorted list.
-- A list is an array table; the recursion is that of the ZK version.
-- lua5.4 sort.lua 3000

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

-- acc followed by x, in a new table: ZK's EXPR copies the list it extends,
-- so every language copies the accumulator here.
local function snoc(acc, x)
  local c = table.move(acc, 1, #acc, 1, {})
  c[#c + 1] = x
  return c
end

-- Merges the sorted lists a and b (from the indexes i and j on) behind acc,
-- taking from a on ties.
local function merge(a, i, b, j, acc)
  if i > #a then
    return table.move(b, j, #b, #acc + 1, acc)
  end
  if j > #b then
    return table.move(a, i, #a, #acc + 1, acc)
  end
  if a[i] > b[j] then
    return merge(a, i, b, j + 1, snoc(acc, b[j]))
  end
  return merge(a, i + 1, b, j, snoc(acc, a[i]))
end

-- Sorts the list l of n elements: the first h = n // 2 elements and the
-- other n - h are sorted apart and merged.
local function msort(l, n)
  if n <= 1 then
    return l
  end
  local h = n // 2
  local left = table.move(l, 1, h, 1, {})
  local right = table.move(l, h + 1, n, 1, {})
  return merge(msort(left, h), 1, msort(right, n - h), 1, {})
end

local function wsum(l, i, s)
  if i > #l then
    return s
  end
  return wsum(l, i + 1, s + i * l[i])
end

local n = math.tointeger(arg[1])
print(wsum(msort(gen(n, 42), n), 1, 0))
