-- gc: N rounds, each of which builds a list of 1000 fresh numbers and drops
-- it, while a list of 500 numbers stays live through all rounds.  The result
-- is the sum, over the rounds, of the first and the last element of each
-- short-lived list, plus the sum of the live list.
-- lua5.4 gc.lua 20000

-- The list b+1 .. b+k, built by the same recursion as the ZK version.
-- Each element is a table of its own so that the collector has objects to
-- trace and free, as the ZK memory has cells (Lua numbers are unboxed).
local function build(k, b)
  if k == 0 then
    return {}
  end
  local l = build(k - 1, b)
  l[#l + 1] = { b + k }
  return l
end

local function ends(l)
  return l[1][1] + l[#l][1]
end

local function sum(l, i, s)
  if i > #l then
    return s
  end
  return sum(l, i + 1, s + l[i][1])
end

local function round(n, live, s)
  if n == 0 then
    return s + sum(live, 1, 0)
  end
  return round(n - 1, live, s + ends(build(1000, n)))
end

print(round(math.tointeger(arg[1]), build(500, 0), 0))
