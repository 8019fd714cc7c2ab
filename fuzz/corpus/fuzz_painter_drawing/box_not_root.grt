object (TGrfBox)
    Name = "B"
    W = 40
    H = 0
end
