-- count: a tail-recursive loop that counts from 0 up to N; the result is N.
-- Lua makes proper tail calls, so the loop stays a recursion here too.
-- lua5.4 count.lua 10000000
local function loop(i, n)
  if i == n then
    return i
  end
  return loop(i + 1, n)
end

print(loop(0, math.tointeger(arg[1])))
