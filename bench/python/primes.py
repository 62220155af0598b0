"""primes: the primes below N counted by trial division with every d from 2
while d * d <= x; the tail calls of the ZK program are loops here.

python3 primes.py 1000 gives 168.
"""
import sys


def prime(x):
    d = 2
    while d * d <= x:
        if x % d == 0:
            return False
        d += 1
    return True


def bench(n):
    s = 0
    x = n - 1
    while x >= 2:
        if prime(x):
            s += 1
        x -= 1
    return s


print(bench(int(sys.argv[1])))
