;; sort: merge sort of N numbers from the Lehmer generator
;; x' = 16807 x mod 2147483647, x0 = 42; the result is the weighted sum
;; 1*y1 + ... + N*yN of the sorted list.  The merge appends each element
;; behind a copy of the accumulator, as the ZK program does.
(define (next x) (modulo (* x 16807) 2147483647))
;; The first K values after X, the earliest last.
(define (gen k x)
  (let loop ((k k) (x x) (acc '()))
    (if (= k 0) acc
        (let ((y (next x))) (loop (- k 1) y (cons y acc))))))
(define (merge a b acc)
  (cond ((null? a) (append acc b))
        ((null? b) (append acc a))
        ((> (car a) (car b)) (merge a (cdr b) (append acc (list (car b)))))
        (else (merge (cdr a) b (append acc (list (car a)))))))
(define (take-first l k) (if (= k 0) '() (cons (car l) (take-first (cdr l) (- k 1)))))
(define (drop-first l k) (if (= k 0) l (drop-first (cdr l) (- k 1))))
(define (msort l n)
  (if (> n 1)
      (let ((h (quotient n 2)))
        (merge (msort (take-first l h) h) (msort (drop-first l h) (- n h)) '()))
      l))
(define (wsum l i s)
  (if (null? l) s (wsum (cdr l) (+ i 1) (+ s (* i (car l))))))
(let ((n (string->number (cadr (command-line)))))
  (display (wsum (msort (gen n 42) n) 1 0))
  (newline))
