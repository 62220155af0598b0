"""sum: the list 1 .. N summed R times by a tail-recursive accumulator.

The result is R N (N + 1) / 2; the tail recursions are while loops.
python3 sum.py 1000 5000
"""
import sys

sys.setrecursionlimit(1000000)


def iota(k):
    if k == 0:
        return []
    l = iota(k - 1)
    l.append(k)
    return l


def total(l):
    i, s = 0, 0
    while i < len(l):
        i, s = i + 1, s + l[i]
    return s


def rep(l, r):
    s = 0
    while r != 0:
        r, s = r - 1, s + total(l)
    return s


print(rep(iota(int(sys.argv[1])), int(sys.argv[2])))
