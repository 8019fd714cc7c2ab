object (TGrfRootComp)
end
