-- nrev: naive (quadratic) reverse of the list 1 .. N, done R times.
-- The result is the sum, over the R reversals, of the weighted sum
-- 1*x1 + 2*x2 + ... + N*xN of the reversed list.
-- A list is an array table; dropping the first element is a step of the
-- index i, as it is a move of the first cell in the ZK version.
-- lua5.4 nrev.lua 300 300

-- The list 1 .. k, built by the same recursion as the ZK version.
local function iota(k)
  if k == 0 then
    return {}
  end
  local l = iota(k - 1)
  l[#l + 1] = k
  return l
end

-- A new list: the elements of a followed by x (costs the length of a).
-- The constructor sizes the table at once; unpack takes lists of up to
-- about a million elements.
local function append(a, x)
  local r = { table.unpack(a) }
  r[#a + 1] = x
  return r
end

-- The reverse of the elements i .. #l of l.
local function nrev(l, i)
  if i > #l then
    return {}
  end
  return append(nrev(l, i + 1), l[i])
end

local function wsum(l, i, s)
  if i > #l then
    return s
  end
  return wsum(l, i + 1, s + i * l[i])
end

local function rep(l, r, s)
  if r == 0 then
    return s
  end
  return rep(l, r - 1, s + wsum(nrev(l, 1), 1, 0))
end

print(rep(iota(math.tointeger(arg[1])), math.tointeger(arg[2]), 0))
