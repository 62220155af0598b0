;; gcd: the sum of gcd(i, j) over all pairs 1 <= i, j <= N, by Euclid's
;; remainders.  guile-3.0 gcd.scm 100 gives 31080.
(define (gcd2 a b) (if (= b 0) a (gcd2 b (remainder a b))))
(define (cols i j s) (if (= j 0) s (cols i (- j 1) (+ s (gcd2 i j)))))
(define (rows i n s) (if (= i 0) s (rows (- i 1) n (cols i n s))))
(let ((n (string->number (cadr (command-line)))))
  (display (rows n n 0))
  (newline))
