-- collatz: the steps that the Collatz sequences of 1 .. N take to reach 1,
-- added up.  lua5.4 collatz.lua 1000 gives 59542.
local function steps(x, k)
  if x == 1 then
    return k
  end
  if x % 2 == 0 then
    return steps(x // 2, k + 1)
  end
  return steps(3 * x + 1, k + 1)
end
local function all(x, s)
  if x == 0 then
    return s
  end
  return all(x - 1, s + steps(x, 0))
end
print(all(math.tointeger(arg[1]), 0))
