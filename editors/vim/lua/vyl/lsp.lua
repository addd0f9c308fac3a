-- vyl-lsp, the Vyl language server, for Vyl buffers, with Neovim's built-in
-- client (Neovim 0.7 and later).  In init.lua, after adding editors/vim to
-- the runtimepath:
--
--   require('vyl.lsp').setup()                                  -- vyl-lsp on $PATH
--   require('vyl.lsp').setup({ cmd = { '/path/to/vyl-lsp' } })  -- or a path
--
-- Options: cmd (the command, a list), on_attach (function(client, bufnr)),
-- capabilities (as vim.lsp.start_client takes them).
local M = {}

local clients = {} -- Neovim 0.7: the client of each root folder

-- The folder a file belongs to: the nearest one above it with a .git, else
-- its own.
local function root_of(bufnr)
  local dir = vim.fn.fnamemodify(vim.api.nvim_buf_get_name(bufnr), ':p:h')
  local git = vim.fn.finddir('.git', dir .. ';')
  if git ~= '' then
    return vim.fn.fnamemodify(git, ':p:h:h')
  end
  return dir
end

function M.start(bufnr, opts)
  opts = opts or {}
  bufnr = (bufnr == nil or bufnr == 0) and vim.api.nvim_get_current_buf() or bufnr
  local root = root_of(bufnr)
  local config = {
    name = 'vyl-lsp',
    cmd = opts.cmd or { 'vyl-lsp' },
    root_dir = root,
    on_attach = opts.on_attach,
    capabilities = opts.capabilities,
  }
  if vim.lsp.start then
    return vim.lsp.start(config, { bufnr = bufnr })
  end
  local id = clients[root]
  local client = id and vim.lsp.get_client_by_id(id)
  if not client or client.is_stopped() then
    id = vim.lsp.start_client(config)
    clients[root] = id
  end
  if id then
    vim.lsp.buf_attach_client(bufnr, id)
  end
  return id
end

-- Starts the server for every Vyl buffer, those open already included.
function M.setup(opts)
  local group = vim.api.nvim_create_augroup('vyl_lsp', { clear = true })
  vim.api.nvim_create_autocmd('FileType', {
    group = group,
    pattern = 'vyl',
    callback = function(args)
      M.start(args.buf, opts)
    end,
  })
  for _, bufnr in ipairs(vim.api.nvim_list_bufs()) do
    if vim.api.nvim_buf_is_loaded(bufnr) and vim.bo[bufnr].filetype == 'vyl' then
      M.start(bufnr, opts)
    end
  end
end

return M
