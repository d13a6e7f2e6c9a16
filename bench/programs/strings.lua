local s, n = "", 0
for i = 1, 300000 do
  s = s .. "xyz"
  if #s > 30 then s = s:sub(4) end
  n = n + s:byte(#s - 1)
end
print(n)
print(s)
