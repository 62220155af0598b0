;; words: a text of N sentences of 8 words, some words the nested phrase
;; (the end), built once; the word the is counted R times at every level.
(define vocabulary #(the cat sat on the mat and dog))
(define (word k) (if (< k 8) (vector-ref vocabulary k) (list 'the 'end)))
(define (sentence i j)
  (if (= j 0) '()
      (append (sentence i (- j 1)) (list (word (modulo (+ (* i 31) (* j j 7)) 9))))))
;; Sentences 1 .. I, in that order.
(define (text i)
  (let loop ((i i) (acc '()))
    (if (= i 0) acc (loop (- i 1) (cons (sentence i 8) acc)))))
(define (count l w s)
  (if (null? l) s (count (cdr l) w (count-one (car l) w s))))
(define (count-one x w s)
  (if (symbol? x) (if (eq? x w) (+ s 1) s) (count x w s)))
(define (rounds t r s) (if (= r 0) s (rounds t (- r 1) (+ s (count t 'the 0)))))
(let ((args (map string->number (cdr (command-line)))))
  (display (rounds (text (car args)) (cadr args) 0))
  (newline))
