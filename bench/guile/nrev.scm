;; nrev: naive (quadratic) reverse of the list 1 .. N, done R times; the
;; result is the sum of the weighted sums 1*x1 + ... + N*xN of the reversals.
;; append copies its first list, as EXPR does in ZK.
(define (iota1 k)
  (let loop ((k k) (acc '()))
    (if (= k 0) acc (loop (- k 1) (cons k acc)))))
(define (nrev l)
  (if (null? l) l (append (nrev (cdr l)) (list (car l)))))
(define (wsum l i s)
  (if (null? l) s (wsum (cdr l) (+ i 1) (+ s (* i (car l))))))
(define (rep l r s)
  (if (= r 0) s (rep l (- r 1) (+ s (wsum (nrev l) 1 0)))))
(let ((args (cdr (command-line))))
  (display (rep (iota1 (string->number (car args))) (string->number (cadr args)) 0))
  (newline))
