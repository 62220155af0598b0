-- tak: Takeuchi's function.  lua5.4 tak.lua 18 12 6 gives 7.
local function tak(x, y, z)
  if x > y then
    return tak(tak(x - 1, y, z), tak(y - 1, z, x), tak(z - 1, x, y))
  end
  return z
end

print(tak(math.tointeger(arg[1]), math.tointeger(arg[2]), math.tointeger(arg[3])))
