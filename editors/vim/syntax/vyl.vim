" Vim syntax file for Vyl (docs/lexical.md, docs/packages.md).
if exists('b:current_syntax')
  finish
endif

" Characters that stop the compilation outside comments and literals.
syn match vylInvalid "[_`@#$\\]"

syn keyword vylStatement if else while do switch break continue return
syn keyword vylLabel case default
syn keyword vylStorage final static synchronized
syn keyword vylKeyword import class new
syn keyword vylType void int byte boolean char String Semaphore FileId
syn keyword vylBoolean true false
syn keyword vylConstant null
syn keyword vylIntrinsic ORD CHR LENGTH PEEK POKE mmPEEK mmPOKE FORK COCALL DEBUG SysOp0 SysOp1 SysOp2
syn keyword vylIntrinsic Signal Wait Open Close Read Write Seek FileInfo
syn keyword vylPackage Hardware Dangerous Semaphores Files

syn match vylFunction "\<[A-Za-z][A-Za-z0-9]*\ze\s*("
" Decimal and hexadecimal; digits directly followed by a letter are a
" number and a name.
syn match vylNumber "\<\d\+"
syn match vylNumber "\<0[xX]\x\+"

syn match vylEscape contained "\\[nrtb'\"\\]"
syn match vylBadEscape contained "\\[^nrtb'\"\\]"
syn region vylString start=+"+ skip=+\\\\\|\\"+ end=+"+ end=+$+ oneline contains=vylEscape,vylBadEscape
syn match vylChar "'\%(\\[nrtb'\"\\]\|[^\\']\)'" contains=vylEscape

syn keyword vylTodo contained TODO FIXME XXX NOTE
syn region vylComment start="/\*" end="\*/" contains=vylTodo,@Spell
syn match vylLineComment "//.*$" contains=vylTodo,@Spell

hi def link vylInvalid Error
hi def link vylStatement Statement
hi def link vylLabel Label
hi def link vylStorage StorageClass
hi def link vylKeyword Keyword
hi def link vylType Type
hi def link vylBoolean Boolean
hi def link vylConstant Constant
hi def link vylIntrinsic Function
hi def link vylPackage Include
hi def link vylFunction Function
hi def link vylNumber Number
hi def link vylEscape SpecialChar
hi def link vylBadEscape Error
hi def link vylString String
hi def link vylChar Character
hi def link vylTodo Todo
hi def link vylComment Comment
hi def link vylLineComment Comment

let b:current_syntax = 'vyl'
