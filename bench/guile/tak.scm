;; tak: Takeuchi's function.  guile-3.0 tak.scm 18 12 6 gives 7.
(define (tak x y z)
  (if (> x y) (tak (tak (- x 1) y z) (tak (- y 1) z x) (tak (- z 1) x y)) z))
(let ((args (map string->number (cdr (command-line)))))
  (display (apply tak args))
  (newline))
