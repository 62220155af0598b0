"""ack: Ackermann's function; ack(3, N) = 2^(N+3) - 3.

The two tail calls are the while loop that they compile to.
python3 ack.py 3 9 gives 4093.
"""
import sys

sys.setrecursionlimit(1000000)


def ack(m, n):
    while m != 0:
        if n == 0:
            m, n = m - 1, 1
        else:
            m, n = m - 1, ack(m, n - 1)
    return n + 1


print(ack(int(sys.argv[1]), int(sys.argv[2])))
