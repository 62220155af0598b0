"""fib: naive doubly recursive Fibonacci numbers, fib(0) = 0, fib(1) = 1.

python3 fib.py 27 gives 196418.
"""
import sys


def fib(n):
    if 2 > n:
        return n
    return fib(n - 1) + fib(n - 2)


print(fib(int(sys.argv[1])))
