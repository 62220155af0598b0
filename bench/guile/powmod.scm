;; powmod: the sum of i^(i + 1000) mod 30011 for i = 1 .. N, each power by
;; recursive repeated squaring.  guile-3.0 powmod.scm 100 gives 1457059.
(define (square x) (remainder (* x x) 30011))
(define (pow b e)
  (cond ((= e 0) 1)
        ((= (remainder e 2) 0) (square (pow b (quotient e 2))))
        (else (remainder (* b (pow b (- e 1))) 30011))))
(define (all i s) (if (= i 0) s (all (- i 1) (+ s (pow (remainder i 30011) (+ i 1000))))))
(display (all (string->number (cadr (command-line))) 0))
(newline)
