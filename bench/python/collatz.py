"""collatz: the steps that the Collatz sequences of 1 .. N take to reach 1,
added up; the tail calls of the ZK program are the loops they compile to.

python3 collatz.py 1000 gives 59542.
"""
import sys


def steps(x):
    k = 0
    while x != 1:
        if x % 2 == 0:
            x = x // 2
        else:
            x = 3 * x + 1
        k += 1
    return k


def bench(n):
    s = 0
    x = n
    while x != 0:
        s += steps(x)
        x -= 1
    return s


print(bench(int(sys.argv[1])))
