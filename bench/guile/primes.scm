;; primes: the primes below N counted by trial division with every d from 2
;; while d * d <= x.  guile-3.0 primes.scm 1000 gives 168.
(define (prime? x d)
  (cond ((> (* d d) x) #t)
        ((= (remainder x d) 0) #f)
        (else (prime? x (+ d 1)))))
(define (count x s)
  (cond ((> 2 x) s)
        ((prime? x 2) (count (- x 1) (+ s 1)))
        (else (count (- x 1) s))))
(display (count (- (string->number (cadr (command-line))) 1) 0))
(newline)
