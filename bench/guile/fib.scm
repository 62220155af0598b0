;; fib: naive doubly recursive Fibonacci numbers, fib(0) = 0, fib(1) = 1.
;; guile-3.0 fib.scm 27 gives 196418.
(define (fib n)
  (if (> 2 n) n (+ (fib (- n 1)) (fib (- n 2)))))
(display (fib (string->number (cadr (command-line)))))
(newline)
