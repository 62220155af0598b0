-- Neovim as a real client of zk lsp: opens $ZK_FILE, waits for the server's
-- diagnostics and writes them to $ZK_OUT, one "LINE:COL: MESSAGE" a line
-- (1-based), then quits. Written for Neovim 0.7 (Debian 12) and later.
local out = assert(os.getenv('ZK_OUT'))
local function finish(lines)
  local file = assert(io.open(out, 'w'))
  file:write(table.concat(lines, '\n'), '\n')
  file:close()
  vim.cmd('qall!')
end

vim.cmd('edit ' .. vim.fn.fnameescape(assert(os.getenv('ZK_FILE'))))
local buffer = vim.api.nvim_get_current_buf()
local client = vim.lsp.start_client({
  name = 'zk',
  cmd = { assert(os.getenv('ZK')), 'lsp' },
  root_dir = vim.fn.getcwd(),
})
if not client then finish({ 'no client' }) end
vim.lsp.buf_attach_client(buffer, client)
local arrived = vim.wait(10000, function() return #vim.diagnostic.get(buffer) > 0 end, 50)
local lines = {}
if not arrived then table.insert(lines, 'no diagnostics') end
for _, d in ipairs(vim.diagnostic.get(buffer)) do
  table.insert(lines, string.format('%d:%d: %s', d.lnum + 1, d.col + 1, d.message))
end
vim.lsp.stop_client(client)
finish(lines)
