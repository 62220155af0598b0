-- ack: Ackermann's function; ack(3, n) = 2^(n+3) - 3.
-- lua5.4 ack.lua 3 9 gives 4093.
local function ack(m, n)
  if m == 0 then
    return n + 1
  end
  if n == 0 then
    return ack(m - 1, 1)
  end
  return ack(m - 1, ack(m, n - 1))
end

print(ack(math.tointeger(arg[1]), math.tointeger(arg[2])))
