"""words: a text of N sentences of 8 words, some words being the nested
phrase ["THE", "END"], is built once, and the word THE is counted R times
at every level of nesting.  The result is R times the count.

python3 words.py 1000 100
"""
import sys

sys.setrecursionlimit(1000000)

VOCABULARY = ["THE", "CAT", "SAT", "ON", "THE", "MAT", "AND", "DOG"]


def word(k):
    return VOCABULARY[k] if k < 8 else ["THE", "END"]


def sentence(i, j):
    if j == 0:
        return []
    s = sentence(i, j - 1)
    s.append(word((i * 31 + j * j * 7) % 9))
    return s


def text(i):
    if i == 0:
        return []
    t = text(i - 1)
    t.append(sentence(i, 8))
    return t


def count(l, w, s):
    for x in l:
        if isinstance(x, str):
            if x == w:
                s += 1
        else:
            s = count(x, w, s)
    return s


def rounds(t, r):
    s = 0
    while r != 0:
        r, s = r - 1, s + count(t, "THE", 0)
    return s


print(rounds(text(int(sys.argv[1])), int(sys.argv[2])))
