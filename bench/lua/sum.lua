-- sum: the list 1 .. n summed r times by a tail-recursive accumulator.
-- The result is r n (n + 1) / 2.  lua5.4 sum.lua 1000 5000

local function iota(k)
  if k == 0 then
    return {}
  end
  local l = iota(k - 1)
  l[#l + 1] = k
  return l
end

local function sum(l, i, s)
  if i > #l then
    return s
  end
  return sum(l, i + 1, s + l[i])
end

local function rep(l, r, s)
  if r == 0 then
    return s
  end
  return rep(l, r - 1, s + sum(l, 1, 0))
end

print(rep(iota(math.tointeger(arg[1])), math.tointeger(arg[2]), 0))
