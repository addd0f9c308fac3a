" Vyl is indented as C is: blocks in braces, case labels inside switch.
if exists('b:did_indent')
  finish
endif
let b:did_indent = 1

setlocal cindent
setlocal cinkeys-=0#
setlocal cinoptions=(0

let b:undo_indent = 'setlocal cindent< cinkeys< cinoptions<'
