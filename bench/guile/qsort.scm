;; qsort: quicksort of N numbers from the Lehmer generator, the first element
;; the pivot; the partitions are built by appending behind a copy, as the ZK
;; program does.  The result is the weighted sum of the sorted list.
(define (next x) (modulo (* x 16807) 2147483647))
;; The first K values after X, the earliest last.
(define (gen k x)
  (let loop ((k k) (x x) (acc '()))
    (if (= k 0) acc
        (let ((y (next x))) (loop (- k 1) y (cons y acc))))))
(define (qs l) (if (null? l) l (part (car l) (cdr l) '() '())))
(define (part p l lo hi)
  (cond ((null? l) (append (qs lo) (list p) (qs hi)))
        ((> p (car l)) (part p (cdr l) (append lo (list (car l))) hi))
        (else (part p (cdr l) lo (append hi (list (car l)))))))
(define (wsum l i s)
  (if (null? l) s (wsum (cdr l) (+ i 1) (+ s (* i (car l))))))
(display (wsum (qs (gen (string->number (cadr (command-line))) 42)) 1 0))
(newline)
