namespace geodesy {}
