# --list --json on the sample tree: the document byte for byte, then read
# back by Python's json module against the tree, the pack's bytes and the
# checksum the pack run printed, and by jq (when installed) against the text
# listing.
export SOURCE_DATE_EPOCH=1767323040
bs --pack -i "$EXAMPLES" -o res.bin >pack.out
cat pack.out
bs --list --json -i res.bin >doc.json
cat doc.json
/usr/bin/python3 - "$EXAMPLES" doc.json res.bin "$(sed -n 's/^crc=//p' pack.out)" <<'PYTHON'
import json, os, struct, sys
root, doc_path, pack_path, crc = sys.argv[1:]
with open(doc_path, encoding="utf-8") as f:
    doc = json.load(f)
with open(pack_path, "rb") as f:
    pack = f.read()
tree = {}
for directory, _, files in os.walk(root):
    for name in files:
        path = os.path.join(directory, name)
        with open(path, "rb") as f:
            tree[os.path.relpath(path, root).replace(os.sep, "/")] = f.read()
entries = doc["entries"]
checks = {
    "keys": all(set(e) == {"index", "name", "start_block", "offset", "size", "zeroed"}
                for e in entries),
    "header": (doc["format"], doc["machine"], doc["date"], doc["time"], doc["entry_count"])
              == (1, "q5", "2026-01-02", "03:04", len(entries)),
    "indices": [e["index"] for e in entries] == list(range(len(entries))),
    "names": sorted(e["name"] for e in entries) == sorted(tree),
    "bytes": all(e["offset"] == e["start_block"] * 512 and not e["zeroed"] and
                 pack[e["offset"]:e["offset"] + e["size"]] == tree[e["name"]] for e in entries),
    "checksum": doc["checksum"] == crc == "0x%08x" % struct.unpack("<I", pack[-4:])[0],
}
failed = [name for name, ok in checks.items() if not ok]
print("python: " + ("wrong " + ", ".join(failed) if failed else
                    "%d entries agree with the tree, the pack and its checksum" % len(entries)))
PYTHON
# Silent when jq agrees with the text listing; skipped, with a note on the
# error stream, when jq is missing.
if command -v jq >/dev/null 2>&1; then
  jq -r '"machine \"\(.machine)\"  packed \(.date) \(.time)  entries \(.entry_count)",
         (.entries[] | "\(.start_block) \(.size) \(.name)")' doc.json >jq.out
  bs --list -i res.bin | awk '/^machine / { print; next } $1 ~ /^[0-9]+$/ { print $1, $2, $3 }' >text.out
  cmp -s jq.out text.out || { echo "jq disagrees with the text listing:"; diff text.out jq.out; }
else
  echo "list_json: jq is not installed, its half of the case is skipped" >&2
fi
