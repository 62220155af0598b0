"""gc: N rounds, each of which builds a list of 1000 fresh numbers and drops
it, while a list of 500 numbers stays live through all rounds.

The result is the sum, over the rounds, of the first and the last element of
each short-lived list, plus the sum of the live list.  Every element is an
int object of its own (they are above the small-int cache), as every ZK
number is a cell.  The ZK tail recursions (round, sum) are while loops here.
python3 gc.py 20000
"""
import sys

sys.setrecursionlimit(100000)


def build(k, b):
    """The list b+1 .. b+k, built by the same recursion as the ZK version."""
    if k == 0:
        return []
    l = build(k - 1, b)
    l.append(b + k)
    return l


def ends(l):
    return l[0] + l[-1]


def total(l):
    s = 0
    i = 0
    while i < len(l):
        s = s + l[i]
        i = i + 1
    return s


def rounds(n, live):
    s = 0
    while n != 0:
        s = s + ends(build(1000, n))
        n = n - 1
    return s + total(live)


print(rounds(int(sys.argv[1]), build(500, 0)))
