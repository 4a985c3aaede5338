<html><head><title>公文上传</title></head>
<body>
<FORM ACTION="/inbox" METHOD=post ENCTYPE="multipart/form-data">
<input type="file" name="attach">
<input type="checkbox" name="remark" value="notice.dat">
<input type="checkbox" name="doc" value="myword.doc">
<input type="checkbox" name="page" value="myword.htm">
<input type="checkbox" name="p1" value="image001.jpg">
<input type="checkbox" name="p2" value="image002.jpg">
<input type="submit" value="上传">
</FORM>
</body></html>
