local a, s = {}, 0
for k = 1, 100 do
  for i = 0, 9999 do a[i] = (i * k) % 1000 end
  for i = 0, 9999 do s = s + a[i] end
end
print(s)
