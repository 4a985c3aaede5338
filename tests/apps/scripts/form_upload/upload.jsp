<html><head><title>Upload</title></head>
<body>
<FORM ACTION="/inbox" METHOD=post ENCTYPE="multipart/form-data">
<input type="file" name="attach">
<input type="checkbox" name="remark" value="remark.dat">
<input type="submit" value="Send">
</FORM>
</body></html>
