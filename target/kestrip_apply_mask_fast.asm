; kestrip_apply_mask_fast: draws a full-screen mask over the display,
; unrolled: key records in a row two a loop, and an FF record's step over
; a 256-byte boundary moved out of the way.
;
; The stream, the interface and the result are those of kestrip_apply_mask
; (kestrip_apply_mask.asm draws the format and says which way the mask bits
; run): each display byte a pair covers becomes screen AND mask OR graphic.
;
;   key      followed by                        covers
;   00       count n (1..255), n graphic bytes  n pairs of mask byte 00: copied
;   FF       count n (1..255)                   n pairs of mask byte FF: left alone
;   01..FE   one graphic byte                   the one pair (key, graphic byte)
;   FF       count 00                           nothing: the end record, always last
;
; In:        HL = the stream's first byte (the item's first data byte)
;            DE = the display bitmap's base address
; Out:       HL = the byte after the end record
;            DE = the display byte after the last pair covered
; Destroys:  AF, BC. IX, IY, the alternate registers and the stack are
;            left alone; interrupts stay as they were. Nothing outside the
;            bytes the records cover is written.
; Size:      93 bytes. Relocatable: no absolute address inside.
; Speed:     a key record 72 T-states (78 on average in a row), an FF
;            record 66 whatever its count (21 more when the bytes it
;            skips cross a 256-byte boundary), a 00 record of n bytes
;            21n + 48 (an LDIR; 21n + 43 after a key record that followed
;            an FF record); the end record 57 with the RET, the entry 19.
;            Figures on whole masks: README, "On the target".

kestrip_apply_mask_fast:
        ld b,0                  ; B stays 0 between records, so a count fits in C
        jr kestrip_apply_mask_fast_after_skip
kestrip_apply_mask_fast_skip_carry:
        inc d
        jr kestrip_apply_mask_fast_after_skip
kestrip_apply_mask_fast_skip:                         ; key FF: skip the count's bytes; count 0 ends the stream
        ld a,(hl)
        inc hl
        or a
        ret z
        add a,e
        ld e,a
        jr c,kestrip_apply_mask_fast_skip_carry
kestrip_apply_mask_fast_after_skip:                   ; after an FF record, most often a key record
        ld c,(hl)               ; the key
        inc hl
        inc c
        jr z,kestrip_apply_mask_fast_skip             ; FF
        dec c
        jr z,kestrip_apply_mask_fast_copy             ; 00
                                ; a key record: screen AND mask OR graphic
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        ld c,(hl)               ; after a key record, most often FF or 00
        inc hl
        inc c
        jr z,kestrip_apply_mask_fast_skip
        dec c
        jr nz,kestrip_apply_mask_fast_keys
kestrip_apply_mask_fast_copy:                         ; key 00: the graphic bytes are the screen bytes
        ld c,(hl)
        inc hl
        ldir
kestrip_apply_mask_fast_after_copy:                   ; after a 00 record, most often a key record
        ld c,(hl)
        inc hl
        inc c
        jr z,kestrip_apply_mask_fast_skip
        dec c
        jr z,kestrip_apply_mask_fast_copy
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        ld c,(hl)
        inc hl
        inc c
        jr z,kestrip_apply_mask_fast_skip
        dec c
        jr z,kestrip_apply_mask_fast_copy
kestrip_apply_mask_fast_keys:                         ; key records in a row: two a loop
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        ld c,(hl)
        inc hl
        inc c
        jr z,kestrip_apply_mask_fast_skip
        dec c
        jr z,kestrip_apply_mask_fast_copy
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        ld c,(hl)
        inc hl
        inc c
        jr z,kestrip_apply_mask_fast_skip
        dec c
        jr z,kestrip_apply_mask_fast_copy
        jr kestrip_apply_mask_fast_keys

