;; hanoi: the moves of the Towers of Hanoi with N discs, counted; the pegs
;; are symbols passed along.  The result is 2^N - 1.
(define (hanoi n from to via)
  (if (= n 0) 0
      (+ (hanoi (- n 1) from via to) (+ 1 (hanoi (- n 1) via to from)))))
(display (hanoi (string->number (cadr (command-line))) 'a 'b 'c))
(newline)
