"""trees: R times a complete binary tree of depth D built and walked.

A leaf is an empty tuple, a node the tuple of its two subtrees.  The
result is R (2^(D+1) - 1), the nodes counted.  python3 trees.py 12 100
"""
import sys


def make(d):
    if d == 0:
        return ()
    return (make(d - 1), make(d - 1))


def check(t):
    if not t:
        return 1
    return 1 + (check(t[0]) + check(t[1]))


def rounds(d, r):
    s = 0
    while r != 0:
        r, s = r - 1, s + check(make(d))
    return s


print(rounds(int(sys.argv[1]), int(sys.argv[2])))
