local i, s = 0, 0
while i < 1000000 do
  local m = i % 4
  if m == 0 then s = s + 1
  elseif m == 1 then s = s + 3
  elseif m == 2 or m == 3 then s = s - 1 end
  i = i + 1
end
print(s)
