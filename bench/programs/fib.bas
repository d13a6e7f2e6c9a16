10 REM recursion through GOSUB with an explicit stack (this BASIC has no recursive functions)
20 DIM NS(100), RS(100)
30 SP = 0
40 N = 24
50 GOSUB 100
60 PRINT R
70 SYSTEM
100 IF N < 2 THEN R = N : RETURN
110 SP = SP + 1 : NS(SP) = N
120 N = N - 1 : GOSUB 100
130 RS(SP) = R : N = NS(SP) - 2
140 GOSUB 100
150 R = R + RS(SP) : SP = SP - 1
160 RETURN
