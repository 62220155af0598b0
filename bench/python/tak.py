"""tak: Takeuchi's function.  python3 tak.py 18 12 6 gives 7."""
import sys


def tak(x, y, z):
    if x > y:
        return tak(tak(x - 1, y, z), tak(y - 1, z, x), tak(z - 1, x, y))
    return z


print(tak(int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])))
