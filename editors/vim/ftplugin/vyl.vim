" Comments and file names for Vyl buffers.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

setlocal commentstring=//\ %s
setlocal comments=s1:/*,mb:*,ex:*/,://
setlocal formatoptions-=t formatoptions+=croql
setlocal suffixesadd=.vyl

let b:undo_ftplugin = 'setlocal commentstring< comments< formatoptions< suffixesadd<'
