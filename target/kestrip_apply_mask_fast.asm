; kestrip_apply_mask_fast: draws a full-screen mask over the display,
; unrolled: two key records a loop, long copies by LDI blocks.
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
; Size:      104 bytes. Relocatable: no absolute address inside.
; Speed:     a key record 76 T-states (82 every second one), a 00 record of
;            n bytes 21n + 78 below 16 (an LDIR), about 17n + 4(n mod 16) +
;            105 from 16 on (blocks of 16 LDI), an FF record 71 whatever its
;            count; the end record 57. Figures on whole masks:
;            README, "On the target".

kestrip_apply_mask_fast:
        ld b,0                  ; B stays 0 between records, so a count fits in C
kestrip_apply_mask_fast_record:                     ; two records a loop: key records come in rows
        ld a,(hl)               ; the key
        inc hl
        inc a
        jr z,kestrip_apply_mask_fast_skip           ; FF
        dec a
        jr z,kestrip_apply_mask_fast_copy           ; 00
        ld c,a                  ; a key record: screen AND mask OR graphic
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        ld a,(hl)               ; the key
        inc hl
        inc a
        jr z,kestrip_apply_mask_fast_skip           ; FF
        dec a
        jr z,kestrip_apply_mask_fast_copy           ; 00
        ld c,a                  ; a key record: screen AND mask OR graphic
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        jr kestrip_apply_mask_fast_record

kestrip_apply_mask_fast_skip:                       ; key FF: skip the count's bytes; count 0 ends the stream
        ld a,(hl)
        inc hl
        or a
        ret z
        add a,e
        ld e,a
        jr nc,kestrip_apply_mask_fast_record
        inc d
        jr kestrip_apply_mask_fast_record

kestrip_apply_mask_fast_copy:                       ; key 00: the graphic bytes are the screen bytes
        ld a,(hl)
        inc hl
        ld c,a
        cp 16
        jr nc,kestrip_apply_mask_fast_long_copy
        ldir
        jr kestrip_apply_mask_fast_record
kestrip_apply_mask_fast_long_copy:                  ; A = BC = n, 16..255
        rrca
        rrca
        rrca
        rrca
        and 0Fh                 ; A = n / 16
kestrip_apply_mask_fast_sixteen:
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        ldi
        dec a                   ; LDI keeps the zero flag
        jr nz,kestrip_apply_mask_fast_sixteen
        or c                    ; BC = n mod 16 now
        jr z,kestrip_apply_mask_fast_record
        ldir
        jr kestrip_apply_mask_fast_record
