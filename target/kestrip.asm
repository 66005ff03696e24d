; kestrip's routines for the target, all of them: include this file, or
; only the files of the routines a program uses (each stands alone).
;
;   kestrip_find_item           finds an item in a binary built with headers on
;   kestrip_unpack_bytes        unpacks a byte stream (header type 1)
;   kestrip_unpack_bytes_fast   the same, unrolled: faster and larger
;   kestrip_unpack_words        unpacks a word stream (header type 2)
;   kestrip_unpack_words_fast   the same, unrolled
;   kestrip_unpack_lz           unpacks an LZ stream (header type 3)
;   kestrip_unpack_lz_fast      the same, faster
;   kestrip_apply_mask          draws a full-screen mask over the display
;   kestrip_apply_mask_fast     the same, unrolled
;
; Each file's head says what its routine reads and writes, its registers,
; size and speed. Every routine is relocatable, writes no code and leaves
; the interrupts as they were.

        include "kestrip_find_item.asm"
        include "kestrip_unpack_bytes.asm"
        include "kestrip_unpack_bytes_fast.asm"
        include "kestrip_unpack_words.asm"
        include "kestrip_unpack_words_fast.asm"
        include "kestrip_unpack_lz.asm"
        include "kestrip_unpack_lz_fast.asm"
        include "kestrip_apply_mask.asm"
        include "kestrip_apply_mask_fast.asm"
