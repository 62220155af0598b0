;; collatz: the steps that the Collatz sequences of 1 .. N take to reach 1,
;; added up.  guile-3.0 collatz.scm 1000 gives 59542.
(define (steps x k)
  (cond ((= x 1) k)
        ((= (remainder x 2) 0) (steps (quotient x 2) (+ k 1)))
        (else (steps (+ (* 3 x) 1) (+ k 1)))))
(define (all x s) (if (= x 0) s (all (- x 1) (+ s (steps x 0)))))
(display (all (string->number (cadr (command-line))) 0))
(newline)
