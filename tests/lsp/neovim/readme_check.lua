-- SPDX-License-Identifier: GPL-3.0-or-later
-- Run by readme_setup.sh in a Neovim whose init.lua is the README's snippet,
-- with main.qv3 of the two-module example open: the file type, the client
-- and the diagnostics the README promises. Works on Neovim 0.7.
local function fail(message)
  io.stderr:write("FAIL: " .. message .. "\n")
  vim.cmd("cquit 1")
end

local buffer = vim.api.nvim_get_current_buf()
if vim.bo[buffer].filetype ~= "qv3" then fail("main.qv3 has file type '" .. vim.bo[buffer].filetype .. "'") end

local function attached()
  for _, client in pairs(vim.lsp.buf_get_clients(buffer)) do
    if client.name == "qv3-lsp" then return true end
  end
  return false
end
if not vim.wait(10000, attached, 20) then fail("no qv3-lsp client attached to main.qv3") end

local function file_errors()
  local count = 0
  for _, diagnostic in ipairs(vim.diagnostic.get(buffer)) do
    if diagnostic.severity == vim.diagnostic.severity.ERROR and diagnostic.message == "File error!" then
      count = count + 1
    end
  end
  return count
end
if not vim.wait(10000, function() return file_errors() > 0 end, 20) then
  fail("no 'File error!' diagnostics for main.qv3's @LIB lines")
end
vim.cmd("qall!")
