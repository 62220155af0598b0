"""qsort: quicksort of N pseudo-random numbers from the Lehmer generator
x' = 16807 x mod 2147483647 with x0 = 42, the first element the pivot.

The result is the weighted sum 1*y1 + 2*y2 + ... + N*yN of the sorted list.
As ZK's EXPR, extending or joining lists copies them; the tail recursion of
the partition is a loop.  python3 qsort.py 3000
"""
import sys

sys.setrecursionlimit(1000000)


def nxt(x):
    return (x * 16807) % 2147483647


def gen(k, x):
    """The generator's first k values after x, the earliest last."""
    if k == 0:
        return []
    x = nxt(x)
    l = gen(k - 1, x)
    l.append(x)
    return l


def qs(l):
    if not l:
        return l
    p = l[0]
    lo, hi = [], []
    for x in l[1:]:
        if p > x:
            lo = lo + [x]
        else:
            hi = hi + [x]
    return qs(lo) + [p] + qs(hi)


def wsum(l):
    s = 0
    for i, x in enumerate(l, 1):
        s += i * x
    return s


print(wsum(qs(gen(int(sys.argv[1]), 42))))
