-- hanoi: the moves of the Towers of Hanoi with n discs, counted; the pegs
-- are strings passed along.  The result is 2^n - 1.  lua5.4 hanoi.lua 20
local function hanoi(n, from, to, via)
  if n == 0 then
    return 0
  end
  return hanoi(n - 1, from, via, to) + (1 + hanoi(n - 1, via, to, from))
end

print(hanoi(math.tointeger(arg[1]), "A", "B", "C"))
