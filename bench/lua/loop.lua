-- loop: a tail-recursive loop that counts down from n to 0 with the
-- comparison on the other side and sums the numbers on its way.
-- The result is n (n + 1) / 2.  lua5.4 loop.lua 10000000
local function loop(i, acc)
  if i > 0 then
    return loop(i - 1, acc + i)
  end
  return acc
end

print(loop(math.tointeger(arg[1]), 0))
