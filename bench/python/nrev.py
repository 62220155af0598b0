"""nrev: naive (quadratic) reverse of the list 1 .. N, done R times.

The result is the sum, over the R reversals, of the weighted sum
1*x1 + 2*x2 + ... + N*xN of the reversed list.  A list is a Python list;
dropping the first element is a step of the index i, as it is a move of the
first cell in the ZK version.  The ZK tail recursions (rep, wsum) are while
loops here.  python3 nrev.py 300 300
"""
import sys

sys.setrecursionlimit(100000)


def iota(k):
    """The list 1 .. k, built by the same recursion as the ZK version."""
    if k == 0:
        return []
    l = iota(k - 1)
    l.append(k)
    return l


def append(a, x):
    """A new list: the elements of a followed by x (costs the length of a)."""
    return a + [x]


def nrev(l, i):
    """The reverse of the elements l[i:]."""
    if i == len(l):
        return []
    return append(nrev(l, i + 1), l[i])


def wsum(l):
    s = 0
    i = 0
    while i < len(l):
        s = s + (i + 1) * l[i]
        i = i + 1
    return s


def rep(l, r):
    s = 0
    while r != 0:
        s = s + wsum(nrev(l, 0))
        r = r - 1
    return s


print(rep(iota(int(sys.argv[1])), int(sys.argv[2])))
