-- trees: r times a complete binary tree of depth d built and walked.  A
-- leaf is an empty table, a node the table of its two subtrees.  The
-- result is r (2^(d+1) - 1), the nodes counted.  lua5.4 trees.lua 12 100
local function make(d)
  if d == 0 then
    return {}
  end
  return { make(d - 1), make(d - 1) }
end

local function check(t)
  if t[1] == nil then
    return 1
  end
  return 1 + (check(t[1]) + check(t[2]))
end

local function rounds(d, r, s)
  if r == 0 then
    return s
  end
  return rounds(d, r - 1, s + check(make(d)))
end

print(rounds(math.tointeger(arg[1]), math.tointeger(arg[2]), 0))
