-- fib: naive doubly recursive Fibonacci numbers, fib(0) = 0, fib(1) = 1.
-- lua5.4 fib.lua 27 gives 196418.
local function fib(n)
  if 2 > n then
    return n
  end
  return fib(n - 1) + fib(n - 2)
end

print(fib(math.tointeger(arg[1])))
