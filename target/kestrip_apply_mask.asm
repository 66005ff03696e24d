; kestrip_apply_mask: draws a full-screen mask over the display.
;
; Reads the mask stream of a "fullscreenmask" item: a mask byte and a
; graphic byte for each display byte from DE on, in display order (the
; order of the bitmap's addresses), packed in records that each begin with
; a key, the mask byte of the first pair they cover:
;
;   key      followed by                        covers
;   00       count n (1..255), n graphic bytes  n pairs of mask byte 00
;   FF       count n (1..255)                   n pairs of mask byte FF (graphics not stored)
;   01..FE   one graphic byte                   the one pair (key, graphic byte)
;   FF       count 00                           nothing: the end record, always last
;
; Mask bits run as the pixels do, bit 7 the leftmost of a byte's eight: a 1
; is a pixel of the mask colour, where the screen shows through; a graphic
; bit 1 is a drawn pixel. Each display byte becomes
;
;   screen AND mask OR graphic
;
; so a 00 record copies its graphic bytes, an FF record leaves its bytes
; as they are (they are neither read nor written), and a key record mixes
; the two. Nothing outside the bytes the records cover is written.
;
; In:        HL = the stream's first byte (the item's first data byte)
;            DE = the display bitmap's base address
; Out:       HL = the byte after the end record
;            DE = the display byte after the last pair covered
;            B = 0
; Destroys:  AF, C. IX, IY, the alternate registers and the stack are
;            left alone; interrupts stay as they were.
; Size:      36 bytes. Relocatable: no absolute address inside.
; Speed:     a key record 88 T-states, a 00 record of n bytes 21n + 60 (an
;            LDIR), an FF record 71 whatever its count; the end record 57.
;            Figures on whole masks: README, "On the target".

kestrip_apply_mask:
        ld b,0                  ; B stays 0 between records, so a count fits in C
kestrip_apply_mask_record:
        ld a,(hl)               ; the key
        inc hl
        inc a
        jr z,kestrip_apply_mask_skip           ; FF
        dec a
        jr z,kestrip_apply_mask_copy           ; 00
        ld c,a                  ; a key record: screen AND mask OR graphic
        ld a,(de)
        and c
        or (hl)
        inc hl
        ld (de),a
        inc de
        jr kestrip_apply_mask_record

kestrip_apply_mask_skip:                       ; key FF: skip the count's bytes; count 0 ends the stream
        ld a,(hl)
        inc hl
        or a
        ret z
        add a,e
        ld e,a
        jr nc,kestrip_apply_mask_record
        inc d
        jr kestrip_apply_mask_record

kestrip_apply_mask_copy:                       ; key 00: the graphic bytes are the screen bytes
        ld c,(hl)
        inc hl
        ldir
        jr kestrip_apply_mask_record
