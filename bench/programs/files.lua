local f = io.open("bench.txt", "w")
for i = 1, 200000 do f:write("0123456789abcdefghijklmnopqrstuvwxyz0123456789abcd\n") end
f:close()
local n, c = 0, 0
for line in io.lines("bench.txt") do n = n + #line; c = c + 1 end
print(c)
print(n)
