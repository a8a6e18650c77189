-- SPDX-License-Identifier: GPL-3.0-or-later
-- Neovim's built-in client (0.7 and later) against qv3-lsp: open main.qv3 of
-- the two-module example, receive its diagnostics, jump to a definition in
-- lib.qv3 and rename that label across both modules, then write the files.
-- Run headless by run_client.sh, which checks the files afterwards.
local server = os.getenv("QV3_LSP")
local folder = os.getenv("QV3_FOLDER")
local main_path = folder .. "/main.qv3"

local function fail(message)
  io.stderr:write("FAIL: " .. message .. "\n")
  vim.cmd("cquit 1")
end

local function line_of(buffer, pattern)
  for number, text in ipairs(vim.api.nvim_buf_get_lines(buffer, 0, -1, false)) do
    local column = text:find(pattern, 1, true)
    if column then return number, column - 1 end
  end
  return nil
end

local published = {}
local default_handler = vim.lsp.handlers["textDocument/publishDiagnostics"]
vim.lsp.handlers["textDocument/publishDiagnostics"] = function(err, result, ctx, config)
  published[vim.uri_to_fname(result.uri)] = result.diagnostics
  return default_handler(err, result, ctx, config)
end

vim.cmd("edit " .. vim.fn.fnameescape(main_path))
local main_buffer = vim.api.nvim_get_current_buf()
local client = vim.lsp.start_client({ name = "qv3-lsp", cmd = { server, "--debounce", "20" }, root_dir = folder })
if not client then fail("qv3-lsp did not start") end
vim.lsp.buf_attach_client(main_buffer, client)

-- lib has not been assembled, so main's @LIB lines are fatal file errors.
if not vim.wait(10000, function() return published[main_path] ~= nil end, 20) then
  fail("no diagnostics for main.qv3")
end
local file_errors = 0
for _, diagnostic in ipairs(published[main_path]) do
  if diagnostic.code == 8 and diagnostic.severity == 1 then file_errors = file_errors + 1 end
end
if file_errors == 0 then fail("main.qv3's diagnostics lack the file error of @LIB") end

-- Go to definition: from @LIB.CLEARSCREEN into lib.qv3.
local use_line, use_column = line_of(main_buffer, "@LIB.CLEARSCREEN")
vim.api.nvim_win_set_cursor(0, { use_line, use_column + 6 })
vim.lsp.buf.definition()
if not vim.wait(10000, function() return vim.api.nvim_buf_get_name(0):match("lib%.qv3$") ~= nil end, 20) then
  fail("definition did not open lib.qv3")
end
local lib_buffer = vim.api.nvim_get_current_buf()
local definition_line = line_of(lib_buffer, "CLEARSCREEN:")
if vim.api.nvim_win_get_cursor(0)[1] ~= definition_line then
  fail("definition landed on line " .. vim.api.nvim_win_get_cursor(0)[1] .. ", not " .. definition_line)
end

-- Rename from the use in main: both modules change.
vim.api.nvim_set_current_buf(main_buffer)
vim.api.nvim_win_set_cursor(0, { use_line, use_column + 6 })
vim.lsp.buf.rename("CLS")
if not vim.wait(10000, function() return line_of(lib_buffer, "CLS:") ~= nil end, 20) then
  fail("rename did not reach lib.qv3")
end
if not line_of(main_buffer, "JSR @LIB.CLS ") then fail("rename did not change main.qv3") end
vim.cmd("wall")
vim.lsp.stop_client(client)
vim.cmd("qall!")
