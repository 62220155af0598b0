;; loop: a tail-recursive loop counting down from N and summing; N (N + 1) / 2.
(define (loop i acc)
  (if (> i 0) (loop (- i 1) (+ acc i)) acc))
(display (loop (string->number (cadr (command-line))) 0))
(newline)
