" Vyl sources end in .vyl.
autocmd BufRead,BufNewFile *.vyl setfiletype vyl
