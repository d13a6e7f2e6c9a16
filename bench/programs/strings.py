s = ""
n = 0
for i in range(300000):
    s = s + "xyz"
    if len(s) > 30:
        s = s[3:]
    n = n + ord(s[-2])
print(n)
print(s)
