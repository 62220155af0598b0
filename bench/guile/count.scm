;; count: a tail-recursive loop that counts from 0 up to N.
;; guile-3.0 count.scm 10000000 gives 10000000.
(define (loop i n)
  (if (= i n) i (loop (+ i 1) n)))
(display (loop 0 (string->number (cadr (command-line)))))
(newline)
