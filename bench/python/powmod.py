"""powmod: the sum of i^(i + 1000) mod 30011 for i = 1 .. N, each power by
recursive repeated squaring.

python3 powmod.py 100 gives 1457059.
"""
import sys


def square(x):
    return x * x % 30011


def power(b, e):
    if e == 0:
        return 1
    if e % 2 == 0:
        return square(power(b, e // 2))
    return b * power(b, e - 1) % 30011


def bench(n):
    s = 0
    i = n
    while i != 0:
        s += power(i % 30011, i + 1000)
        i -= 1
    return s


print(bench(int(sys.argv[1])))
