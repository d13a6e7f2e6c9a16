i = 0
s = 0
while i < 1000000:
    m = i % 4
    if m == 0:
        s = s + 1
    elif m == 1:
        s = s + 3
    elif m == 2 or m == 3:
        s = s - 1
    i = i + 1
print(s)
