;; sum: the list 1 .. N summed R times by a tail-recursive accumulator.
(define (iota1 k)
  (let loop ((k k) (acc '()))
    (if (= k 0) acc (loop (- k 1) (cons k acc)))))
(define (sum l s) (if (null? l) s (sum (cdr l) (+ s (car l)))))
(define (rep l r s) (if (= r 0) s (rep l (- r 1) (+ s (sum l 0)))))
(let ((args (cdr (command-line))))
  (display (rep (iota1 (string->number (car args))) (string->number (cadr args)) 0))
  (newline))
