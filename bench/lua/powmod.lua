-- powmod: the sum of i^(i + 1000) mod 30011 for i = 1 .. N, each power by
-- recursive repeated squaring.  lua5.4 powmod.lua 100 gives 1457059.
local function square(x)
  return x * x % 30011
end
local function pow(b, e)
  if e == 0 then
    return 1
  end
  if e % 2 == 0 then
    return square(pow(b, e // 2))
  end
  return b * pow(b, e - 1) % 30011
end
local function all(i, s)
  if i == 0 then
    return s
  end
  return all(i - 1, s + pow(i % 30011, i + 1000))
end
print(all(math.tointeger(arg[1]), 0))
