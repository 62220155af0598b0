"""loop: a tail-recursive loop that counts down from N to 0 with the
comparison on the other side and sums the numbers on its way.

The result is N (N + 1) / 2.  Python has no tail calls, so the tail
recursion is the while loop that it compiles to.  python3 loop.py 10000000
"""
import sys


def loop(i, acc):
    while i > 0:
        i, acc = i - 1, acc + i
    return acc


print(loop(int(sys.argv[1]), 0))
