-- queens: the number of ways to place n queens on an n x n board so that
-- no two attack each other.  lua5.4 queens.lua 8 gives 92.
-- qs holds the columns of the queens placed, the latest first; as ZK's
-- EXPR, placing a queen copies it.

-- Whether a queen in column c is safe from qs[i..], the nearest d rows away.
local function safe(c, qs, i, d)
  if i > #qs then
    return true
  end
  local q = qs[i]
  if q == c or q - c == d or c - q == d then
    return false
  end
  return safe(c, qs, i + 1, d + 1)
end

local place

local function try(n, c, r, qs)
  if safe(c, qs, 1, 1) then
    local next = { c }
    table.move(qs, 1, #qs, 2, next)
    return place(n, r - 1, next)
  end
  return 0
end

local function columns(n, c, r, qs, s)
  if c == 0 then
    return s
  end
  return columns(n, c - 1, r, qs, s + try(n, c, r, qs))
end

place = function(n, r, qs)
  if r == 0 then
    return 1
  end
  return columns(n, n, r, qs, 0)
end

local n = math.tointeger(arg[1])
print(place(n, n, {}))
