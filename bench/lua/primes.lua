-- primes: the primes below N counted by trial division with every d from 2
-- while d * d <= x.  lua5.4 primes.lua 1000 gives 168.
local function prime(x, d)
  if d * d > x then
    return true
  end
  if x % d == 0 then
    return false
  end
  return prime(x, d + 1)
end
local function count(x, s)
  if 2 > x then
    return s
  end
  if prime(x, 2) then
    return count(x - 1, s + 1)
  end
  return count(x - 1, s)
end
print(count(math.tointeger(arg[1]) - 1, 0))
