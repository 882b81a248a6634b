-- Expands the template in the file named by arg[1] with the stock Lua 5.3 interpreter, the way
-- Tessary's template runner is meant to, and writes "OK:" and the expansion, or "ERROR:" and the
-- message. The runner's tests compare their results with this: print formatting, number
-- conversion and Lua's error messages come from the real Lua here.
local file = assert(io.open(arg[1], "rb"))
local text = file:read("a")
file:close()

local write, to_text, captured = io.write, tostring, nil
local function emit(separator, ending, ...)
  local parts = {}
  for i = 1, select("#", ...) do
    local piece = tostring((select(i, ...)))
    if type(piece) ~= "string" and type(piece) ~= "number" then
      error("'tostring' must return a string to 'print'", 3)
    end
    parts[#parts + 1] = piece
  end
  captured[#captured + 1] = table.concat(parts, separator) .. ending
end
print = function(...) emit("\t", "\n", ...) end
nprint = function(...) emit("", "", ...) end
io, package.loaded.io = nil, nil

local function describe(value)
  if type(value) == "string" or type(value) == "number" then return to_text(value) end
  return "(error object is a " .. type(value) .. " value)"
end

local out, p = {}, 1
while true do
  local c = text:find("<%", p, true)
  if not c then break end
  local e = text:find("%>", c + 2, true)
  if not e then break end
  out[#out + 1] = text:sub(p, c - 1)
  local chunk = text:sub(c + 2, e - 1)
  p = e + 2
  captured = {}
  local f, message = load(chunk, chunk)
  if not f then write("ERROR:", describe(message)) return end
  local ok, failure = pcall(f)
  if not ok then write("ERROR:", describe(failure)) return end
  out[#out + 1] = table.concat(captured)
end
out[#out + 1] = text:sub(p)
write("OK:", table.concat(out))
