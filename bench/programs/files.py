with open("bench.txt", "w") as f:
    for i in range(200000):
        f.write("0123456789abcdefghijklmnopqrstuvwxyz0123456789abcd\n")
n = 0
c = 0
with open("bench.txt") as f:
    for line in f:
        n = n + len(line.rstrip("\n"))
        c = c + 1
print(c)
print(n)
