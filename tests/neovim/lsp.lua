-- The language server under a real editor: Neovim headless starts it, opens the two
-- sources of an exported scenario as Windows-1252, and asks what an author's editor asks.
-- Any failure ends Neovim with status 1 and a line on standard error.
local compattatore = os.getenv('COMPATTATORE')
local cartella = os.getenv('CARTELLA')
local linea = cartella .. '/Orvesa_Cusvana_linea.txt'
local treno = cartella .. '/Orvesa_Cusvana_5927-.txt'

local function fallisci(testo)
  io.stderr:write('lsp.lua: ' .. testo .. '\n')
  vim.cmd('cquit 1')
end
local function verifica(condizione, testo)
  if not condizione then
    fallisci(testo)
  end
end

local ok, errore = pcall(function()
  vim.o.fileencodings = 'cp1252'
  vim.cmd('edit ' .. vim.fn.fnameescape(treno))
  local buf_treno = vim.api.nvim_get_current_buf()
  vim.cmd('edit ' .. vim.fn.fnameescape(linea))
  local buf_linea = vim.api.nvim_get_current_buf()

  local uscita = nil
  local client = vim.lsp.start_client({
    cmd = { compattatore, 'lsp' },
    root_dir = cartella,
    on_exit = function(codice)
      uscita = codice
    end,
  })
  verifica(client, 'start_client failed')
  vim.lsp.buf_attach_client(buf_linea, client)
  vim.lsp.buf_attach_client(buf_treno, client)
  verifica(vim.wait(10000, function()
    return vim.lsp.get_client_by_id(client).initialized
  end), 'no initialize answer')

  -- The carried scenario is clean: no diagnostics once both files are checked.
  vim.wait(1000)
  verifica(#vim.diagnostic.get(buf_linea) == 0 and #vim.diagnostic.get(buf_treno) == 0,
    'the carried scenario has diagnostics: ' .. vim.inspect(vim.diagnostic.get()))

  local function chiedi(buf, metodo, parametri)
    parametri.textDocument = { uri = vim.uri_from_bufnr(buf) }
    local risposte = vim.lsp.buf_request_sync(buf, metodo, parametri, 10000)
    verifica(risposte and risposte[client] and risposte[client].result ~= nil,
      metodo .. ': no result ' .. vim.inspect(risposte))
    return risposte[client].result
  end

  -- Hover on a station: its fields by name.
  local righe = vim.api.nvim_buf_get_lines(buf_treno, 0, -1, false)
  local riga_stazione
  for i, r in ipairs(righe) do
    if r:match('^stazione') and not riga_stazione then
      riga_stazione = i - 1
    end
  end
  local hover = chiedi(buf_treno, 'textDocument/hover', { position = { line = riga_stazione, character = 2 } })
  verifica(hover.contents.value:find('stazione', 1, true) and hover.contents.value:find('ORVESA', 1, true),
    'hover: ' .. vim.inspect(hover))

  -- Completion in the gradients section of the line file.
  local righe_linea = vim.api.nvim_buf_get_lines(buf_linea, 0, -1, false)
  local riga_pendenza
  for i, r in ipairs(righe_linea) do
    if r:match('^pendenza,  850 ') then
      riga_pendenza = i - 1
    end
  end
  verifica(riga_pendenza, 'no gradient row')
  local completamento = chiedi(buf_linea, 'textDocument/completion', { position = { line = riga_pendenza, character = 0 } })
  local etichette = {}
  for _, v in ipairs(completamento.items) do
    etichette[v.label] = true
  end
  verifica(etichette['pendenza'] and etichette['[curve]'] and not etichette['curvas'],
    'completion: ' .. vim.inspect(etichette))

  -- The train file's outline: the stations by name, under their section.
  local simboli = chiedi(buf_treno, 'textDocument/documentSymbol', {})
  local stazioni = 0
  for _, s in ipairs(simboli) do
    if s.name == '[stazioni]' then
      stazioni = #s.children
    end
  end
  verifica(stazioni > 10, 'document symbols: ' .. stazioni .. ' stations')

  -- A misspelt keyword: a warning appears, with its quick fix; put right, it goes.
  vim.api.nvim_buf_set_lines(buf_linea, riga_pendenza, riga_pendenza + 1, false, { 'pendenzza,  850 , 4 ' })
  verifica(vim.wait(10000, function()
    return #vim.diagnostic.get(buf_linea) > 0
  end), 'no diagnostic after the edit')
  local d = vim.diagnostic.get(buf_linea)[1]
  verifica(d.lnum == riga_pendenza and d.col == 0 and d.end_col == 9 and d.severity == vim.diagnostic.severity.WARN
    and d.source == 'compattatore', 'diagnostic: ' .. vim.inspect(d))
  local azioni = chiedi(buf_linea, 'textDocument/codeAction', {
    range = { start = { line = riga_pendenza, character = 0 }, ['end'] = { line = riga_pendenza, character = 9 } },
    context = { diagnostics = {} },
  })
  verifica(#azioni == 1 and azioni[1].kind == 'quickfix', 'code actions: ' .. vim.inspect(azioni))
  vim.api.nvim_buf_set_lines(buf_linea, riga_pendenza, riga_pendenza + 1, false, { 'pendenza,  850 , 4 ' })
  verifica(vim.wait(10000, function()
    return #vim.diagnostic.get(buf_linea) == 0
  end), 'the diagnostic stays after the row is put right')

  -- Stopped, the server exits with status 0.
  vim.lsp.stop_client(client)
  verifica(vim.wait(10000, function()
    return uscita ~= nil
  end), 'the server did not exit')
  verifica(uscita == 0, 'exit status ' .. tostring(uscita))
end)
if not ok then
  fallisci(tostring(errore))
end
vim.cmd('qall!')
