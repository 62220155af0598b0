"""queens: the number of ways to place N queens on an N x N board so that
no two attack each other.

qs holds the columns of the queens placed, the latest first; as ZK's EXPR,
placing a queen copies it.  python3 queens.py 8 gives 92.
"""
import sys


def safe(c, qs):
    d = 1
    for q in qs:
        if q == c or q - c == d or c - q == d:
            return False
        d += 1
    return True


def place(n, r, qs):
    if r == 0:
        return 1
    s = 0
    c = n
    while c != 0:
        if safe(c, qs):
            s += place(n, r - 1, [c] + qs)
        c -= 1
    return s


n = int(sys.argv[1])
print(place(n, n, []))
