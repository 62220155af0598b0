;; ack: Ackermann's function; ack(3, N) = 2^(N+3) - 3.
(define (ack m n)
  (cond ((= m 0) (+ n 1))
        ((= n 0) (ack (- m 1) 1))
        (else (ack (- m 1) (ack m (- n 1))))))
(let ((args (map string->number (cdr (command-line)))))
  (display (apply ack args))
  (newline))
