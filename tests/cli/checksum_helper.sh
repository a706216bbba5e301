# The test helpers' own checksum against the published check values, so a
# fault in the helper cannot hide one in the tool.
printf '123456789' >digits
printf 'abc' >letters
: >empty
crc_of digits 9
crc_of letters 3
crc_of empty 0
# Only the first BYTES bytes count.
crc_of digits 3
printf 'abc\326\235\164\174' >with_word
stored_crc_of with_word
