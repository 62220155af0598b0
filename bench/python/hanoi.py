"""hanoi: the moves of the Towers of Hanoi with N discs, counted; the pegs
are strings passed along.  The result is 2^N - 1.  python3 hanoi.py 20
"""
import sys


def hanoi(n, frm, to, via):
    if n == 0:
        return 0
    return hanoi(n - 1, frm, via, to) + (1 + hanoi(n - 1, via, to, frm))


print(hanoi(int(sys.argv[1]), "A", "B", "C"))
