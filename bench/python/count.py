"""count: a tail-recursive loop that counts from 0 up to N; the result is N.

Python has no tail calls, so the ZK tail recursion is written as the while
loop that it compiles to.  python3 count.py 10000000
"""
import sys


def loop(i, n):
    while i != n:
        i = i + 1
    return i


print(loop(0, int(sys.argv[1])))
