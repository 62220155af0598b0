;; gc: N rounds, each building a list of 1000 fresh numbers and dropping it,
;; while a list of 500 numbers stays live; the result is the sum of the first
;; and last element of each short-lived list plus the sum of the live list.
(define (build k b)
  (let loop ((k k) (acc '()))
    (if (= k 0) acc (loop (- k 1) (cons (+ b k) acc)))))
(define (ends l) (+ (car l) (car (last-pair l))))
(define (sum l s) (if (null? l) s (sum (cdr l) (+ s (car l)))))
(define (round n live s)
  (if (= n 0) (+ s (sum live 0))
      (round (- n 1) live (+ s (ends (build 1000 n))))))
(display (round (string->number (cadr (command-line))) (build 500 0) 0))
(newline)
