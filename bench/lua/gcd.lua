-- gcd: the sum of gcd(i, j) over all pairs 1 <= i, j <= N, by Euclid's
-- remainders.  lua5.4 gcd.lua 100 gives 31080.
local function gcd(a, b)
  if b == 0 then
    return a
  end
  return gcd(b, a % b)
end
local function cols(i, j, s)
  if j == 0 then
    return s
  end
  return cols(i, j - 1, s + gcd(i, j))
end
local function rows(i, n, s)
  if i == 0 then
    return s
  end
  return rows(i - 1, n, cols(i, n, s))
end
local n = math.tointeger(arg[1])
print(rows(n, n, 0))
