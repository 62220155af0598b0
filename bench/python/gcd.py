"""gcd: the sum of gcd(i, j) over all pairs 1 <= i, j <= N, by Euclid's
remainders; the tail calls of the ZK program are the loops they compile to.

python3 gcd.py 100 gives 31080.
"""
import sys


def gcd(a, b):
    while b != 0:
        a, b = b, a % b
    return a


def bench(n):
    s = 0
    i = n
    while i != 0:
        j = n
        while j != 0:
            s += gcd(i, j)
            j -= 1
        i -= 1
    return s


print(bench(int(sys.argv[1])))
