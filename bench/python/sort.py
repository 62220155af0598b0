"""sort: merge sort of N pseudo-random numbers from the Lehmer generator
x' = 16807 x mod 2147483647 with x0 = 42.

The result is the weighted sum 1*y1 + 2*y2 + ... + N*yN of the sorted list.
A list is a Python list; the recursion is that of the ZK version, whose tail
recursions (merge, wsum) are while loops here.  python3 sort.py 3000
"""
import sys

sys.setrecursionlimit(100000)


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


def merge(a, b):
    """Merges the sorted lists a and b, taking from a on ties."""
    acc = []
    i = 0
    j = 0
    while True:
        if i == len(a):
            acc.extend(b[j:])
            return acc
        if j == len(b):
            acc.extend(a[i:])
            return acc
        # acc + [x] is a new list: ZK's EXPR copies the list it extends, so
        # every language copies the accumulator here.
        if a[i] > b[j]:
            acc = acc + [b[j]]
            j = j + 1
        else:
            acc = acc + [a[i]]
            i = i + 1


def msort(l, n):
    """Sorts the list l of n elements: the first h = n // 2 elements and the
    other n - h are sorted apart and merged."""
    if n <= 1:
        return l
    h = n // 2
    return merge(msort(l[:h], h), msort(l[h:], n - h))


def wsum(l):
    s = 0
    i = 0
    while i < len(l):
        s = s + (i + 1) * l[i]
        i = i + 1
    return s


n = int(sys.argv[1])
print(wsum(msort(gen(n, 42), n)))
