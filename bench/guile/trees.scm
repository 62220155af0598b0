;; trees: R times a complete binary tree of depth D built and walked; the
;; nodes are counted.  A leaf is the empty list, a node the list of its two
;; subtrees.
(define (make d) (if (= d 0) '() (list (make (- d 1)) (make (- d 1)))))
(define (check t) (if (null? t) 1 (+ 1 (+ (check (car t)) (check (cadr t))))))
(define (rounds d r s) (if (= r 0) s (rounds d (- r 1) (+ s (check (make d))))))
(let ((args (map string->number (cdr (command-line)))))
  (display (rounds (car args) (cadr args) 0))
  (newline))
