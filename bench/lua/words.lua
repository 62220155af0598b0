-- words: a text of n sentences of 8 words, some words being the nested
-- phrase {"THE", "END"}, is built once, and the word THE is counted r times
-- at every level of nesting.  The result is r times the count.
-- lua5.4 words.lua 1000 100

local VOCABULARY = { "THE", "CAT", "SAT", "ON", "THE", "MAT", "AND", "DOG" }

local function word(k)
  if k < 8 then
    return VOCABULARY[k + 1]
  end
  return { "THE", "END" }
end

local function sentence(i, j)
  if j == 0 then
    return {}
  end
  local s = sentence(i, j - 1)
  s[#s + 1] = word((i * 31 + j * j * 7) % 9)
  return s
end

local function text(i)
  if i == 0 then
    return {}
  end
  local t = text(i - 1)
  t[#t + 1] = sentence(i, 8)
  return t
end

local count

local function countone(x, w, s)
  if type(x) == "string" then
    if x == w then
      return s + 1
    end
    return s
  end
  return count(x, 1, w, s)
end

count = function(l, i, w, s)
  if i > #l then
    return s
  end
  return count(l, i + 1, w, countone(l[i], w, s))
end

local function rounds(t, r, s)
  if r == 0 then
    return s
  end
  return rounds(t, r - 1, s + count(t, 1, "THE", 0))
end

print(rounds(text(math.tointeger(arg[1])), math.tointeger(arg[2]), 0))
