a = [0] * 10000
s = 0
for k in range(1, 101):
    for i in range(10000):
        a[i] = (i * k) % 1000
    for i in range(10000):
        s = s + a[i]
print(s)
