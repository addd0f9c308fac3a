-- Neovim, headless, with the repository's configuration (editors/vim on the
-- runtimepath, vyl.lsp registering vyl-lsp), edits a Vyl file as a person
-- would and checks what the server gives it.  Environment: VYL_LSP (the
-- server), VYL_FILE (a copy of prog.vyl).  Exits 0 when every check holds.
local failures = {}
local function check(ok, what)
  if not ok then
    table.insert(failures, what)
  end
end
local function finish()
  for _, f in ipairs(failures) do
    io.stderr:write('nvim e2e: ' .. f .. '\n')
  end
  vim.cmd(#failures == 0 and 'qall!' or 'cquit!')
end
local function describe(list)
  return vim.inspect(list):gsub('\n', ' ')
end

local ERROR = vim.diagnostic.severity.ERROR
local function errors(buf)
  return vim.diagnostic.get(buf, { severity = ERROR })
end

local function run()
  require('vyl.lsp').setup({ cmd = { os.getenv('VYL_LSP') } })
  vim.cmd('edit ' .. vim.fn.fnameescape(os.getenv('VYL_FILE')))
  local buf = vim.api.nvim_get_current_buf()
  check(vim.bo[buf].filetype == 'vyl', 'the file is not detected as Vyl: ' .. vim.bo[buf].filetype)
  check(vim.b[buf].current_syntax == 'vyl' or vim.fn.exists('b:current_syntax') == 1, 'no Vyl syntax')

  -- 1. The error, where the undefined name stands (line 5, column 11).
  if not vim.wait(20000, function() return #errors(buf) > 0 end, 20) then
    check(false, 'no error diagnostic came')
    return
  end
  local e = errors(buf)[1]
  check(e.lnum == 4 and e.col == 10 and e.end_col == 14, 'error at ' .. e.lnum .. ':' .. e.col .. '-' .. tostring(e.end_col))
  check(e.message == 'Undefined name totl', 'error message: ' .. e.message)

  -- 2. Fixed: no error any more.
  vim.api.nvim_buf_set_lines(buf, 4, 5, false, { '  total = helper(2);' })
  check(vim.wait(10000, function() return #errors(buf) == 0 end, 20), 'the error stays after the fix: ' .. describe(errors(buf)))

  -- 3. The definition of the call helper(2): line 3.
  vim.api.nvim_win_set_cursor(0, { 5, 11 })
  vim.lsp.buf.definition()
  check(vim.wait(10000, function() return vim.api.nvim_win_get_cursor(0)[1] == 3 end, 20),
    'definition went to line ' .. vim.api.nvim_win_get_cursor(0)[1])

  -- 4. Hover on total (line 6): its declaration with its type.
  local at = function(line, character)
    return { textDocument = vim.lsp.util.make_text_document_params(buf), position = { line = line, character = character } }
  end
  local replies = vim.lsp.buf_request_sync(buf, 'textDocument/hover', at(5, 17), 10000) or {}
  local hover = ''
  for _, r in pairs(replies) do
    if r.result then hover = r.result.contents.value end
  end
  check(hover:find('int total', 1, true) ~= nil, 'hover: ' .. hover)

  -- 5. Completion after "Print." offers datum.
  replies = vim.lsp.buf_request_sync(buf, 'textDocument/completion', at(5, 8), 10000) or {}
  local labels = {}
  for _, r in pairs(replies) do
    for _, item in ipairs((r.result or {}).items or r.result or {}) do
      table.insert(labels, item.label)
    end
  end
  check(vim.tbl_contains(labels, 'datum'), 'completion after Print.: ' .. describe(labels))

  -- 6. The document's symbols name every global and function.
  replies = vim.lsp.buf_request_sync(buf, 'textDocument/documentSymbol',
    { textDocument = vim.lsp.util.make_text_document_params(buf) }, 10000) or {}
  local names = {}
  for _, r in pairs(replies) do
    for _, s in ipairs(r.result or {}) do
      table.insert(names, s.name)
    end
  end
  check(vim.deep_equal(names, { 'total', 'helper', 'main' }), 'document symbols: ' .. describe(names))
end

local ok, problem = pcall(run)
check(ok, tostring(problem))
finish()
