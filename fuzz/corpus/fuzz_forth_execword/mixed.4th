: OpenUnitSource ' a' ' A' = $FF -1 & 3 | NOT Alias Letter .@ Mode .@ Ratio .@ ;
: Open 0 ;
